<?xml version="1.0" encoding="UTF-8"?>
<core:CityModel xmlns:core="http://www.opengis.net/citygml/2.0" xmlns:gml="http://www.opengis.net/gml" xmlns:urf="https://www.geospatial.jp/iur/urf/3.1">
	<gml:boundedBy>
		<gml:Envelope srsName="http://www.opengis.net/def/crs/EPSG/0/6668" srsDimension="2">
			<gml:lowerCorner>35.68 139.76</gml:lowerCorner>
			<gml:upperCorner>35.69 139.77</gml:upperCorner>
		</gml:Envelope>
	</gml:boundedBy>
	<core:cityObjectMember>
		<urf:UseDistrict gml:id="urf_pct">
			<urf:function codeSpace="../../codelists/Common_districtsAndZonesType.xml">15</urf:function>
			<urf:buildingCoverageRate>60</urf:buildingCoverageRate>
			<urf:floorAreaRate>200</urf:floorAreaRate>
			<urf:lod1MultiSurface>
				<gml:MultiSurface>
					<gml:surfaceMember>
						<gml:Polygon>
							<gml:exterior>
								<gml:LinearRing>
									<gml:posList>35.680000 139.760000 35.680000 139.764000 35.684000 139.764000 35.684000 139.760000 35.680000 139.760000</gml:posList>
								</gml:LinearRing>
							</gml:exterior>
						</gml:Polygon>
					</gml:surfaceMember>
				</gml:MultiSurface>
			</urf:lod1MultiSurface>
		</urf:UseDistrict>
	</core:cityObjectMember>
	<core:cityObjectMember>
		<urf:UseDistrict gml:id="urf_ratio">
			<gml:name>駅前地区</gml:name>
			<urf:function codeSpace="../../codelists/Common_districtsAndZonesType.xml">20</urf:function>
			<urf:floorAreaRate>4</urf:floorAreaRate>
			<urf:buildingCoverageRate>0.8</urf:buildingCoverageRate>
			<urf:lod1MultiSurface>
				<gml:MultiSurface>
					<gml:surfaceMember>
						<gml:Polygon>
							<gml:exterior>
								<gml:LinearRing>
									<gml:posList>35.685000 139.760000 35.685000 139.764000 35.689000 139.764000 35.689000 139.760000 35.685000 139.760000</gml:posList>
								</gml:LinearRing>
							</gml:exterior>
						</gml:Polygon>
					</gml:surfaceMember>
				</gml:MultiSurface>
			</urf:lod1MultiSurface>
		</urf:UseDistrict>
	</core:cityObjectMember>
	<core:cityObjectMember>
		<urf:HeightControlDistrict gml:id="urf_height">
			<urf:function codeSpace="../../codelists/Common_districtsAndZonesType.xml">8</urf:function>
			<urf:lod1MultiSurface>
				<gml:MultiSurface>
					<gml:surfaceMember>
						<gml:Polygon>
							<gml:exterior>
								<gml:LinearRing>
									<gml:posList>35.680000 139.765000 35.680000 139.769000 35.684000 139.769000 35.684000 139.765000 35.680000 139.765000</gml:posList>
								</gml:LinearRing>
							</gml:exterior>
						</gml:Polygon>
					</gml:surfaceMember>
				</gml:MultiSurface>
			</urf:lod1MultiSurface>
		</urf:HeightControlDistrict>
	</core:cityObjectMember>
</core:CityModel>
