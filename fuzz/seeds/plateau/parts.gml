<?xml version="1.0" encoding="UTF-8"?>
<core:CityModel xmlns:core="http://www.opengis.net/citygml/2.0" xmlns:bldg="http://www.opengis.net/citygml/building/2.0" xmlns:gml="http://www.opengis.net/gml" xmlns:uro="https://www.geospatial.jp/iur/uro/3.1" xmlns:urf="https://www.geospatial.jp/iur/urf/3.1">
	<gml:boundedBy>
		<gml:Envelope srsName="http://www.opengis.net/def/crs/EPSG/0/6697" srsDimension="3">
			<gml:lowerCorner>35.68 139.76 0</gml:lowerCorner>
			<gml:upperCorner>35.681 139.761 0</gml:upperCorner>
		</gml:Envelope>
	</gml:boundedBy>
	<core:cityObjectMember>
		<bldg:Building gml:id="BLD_parts">
			<gml:name>駅前ビル</gml:name>
			<bldg:usage codeSpace="../../codelists/Building_usage.xml">402</bldg:usage>
			<bldg:measuredHeight uom="m">40.2</bldg:measuredHeight>
			<bldg:consistsOfBuildingPart>
				<bldg:BuildingPart gml:id="BLD_part_1">
					<bldg:measuredHeight uom="m">40.2</bldg:measuredHeight>
					<bldg:storeysAboveGround>12</bldg:storeysAboveGround>
					<bldg:lod0FootPrint>
						<gml:MultiSurface>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6802 139.7602 3.5 35.6802 139.7605 3.5 35.6805 139.7605 3.5 35.6805 139.7602 3.5 35.6802 139.7602 3.5</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
						</gml:MultiSurface>
					</bldg:lod0FootPrint>
				</bldg:BuildingPart>
			</bldg:consistsOfBuildingPart>
			<bldg:consistsOfBuildingPart>
				<bldg:BuildingPart gml:id="BLD_part_2">
					<bldg:measuredHeight uom="m">8.04</bldg:measuredHeight>
					<bldg:storeysAboveGround>2</bldg:storeysAboveGround>
					<bldg:lod0FootPrint>
						<gml:MultiSurface>
							<gml:surfaceMember>
								<gml:Polygon>
									<gml:exterior>
										<gml:LinearRing>
											<gml:posList>35.6805 139.7602 3.5 35.6805 139.7605 3.5 35.680800000000005 139.7605 3.5 35.680800000000005 139.7602 3.5 35.6805 139.7602 3.5</gml:posList>
										</gml:LinearRing>
									</gml:exterior>
								</gml:Polygon>
							</gml:surfaceMember>
						</gml:MultiSurface>
					</bldg:lod0FootPrint>
				</bldg:BuildingPart>
			</bldg:consistsOfBuildingPart>
		</bldg:Building>
	</core:cityObjectMember>
</core:CityModel>
